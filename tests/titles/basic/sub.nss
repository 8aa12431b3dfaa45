page version=116 result=int
WhileInit {i = 0}
While {i < 3}
  Calc {@Result = @Result + i}
  WhileLoop {i = i + 1}
Exit
