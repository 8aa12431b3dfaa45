page version=116 result=int
WhileInit {i = 0}
While {i < 3} end=4
  Calc {@Result = @Result + i}
  WhileLoop {i = i + 1} start=1
Exit
