page version=116 result=int
WhileInit {i = 0}
While {i < 10}
  While {j < i}
    If {j == 3}
      Break
    Continue {j % 2 == 0}
    WhileLoop {j = j + 1}
  If {i == 7}
    Break {TRUE}
  Else
    Continue
  WhileLoop {i = i + 1}
While {a} end=-1
  Break target=3
  WhileLoop start=2
Exit
