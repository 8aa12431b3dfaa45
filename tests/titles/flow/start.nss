page version=116 result=int
VarNew "log" type=str value={""}
VarNew "x" type=int
WhileInit {x = 1}
While {x <= 5}
  If {x == 1}
    Calc {log = log ++ "a"}
  Elseif {x == 2}
    Calc {log = log ++ "b"}
  Elseif {x == 3}
    Calc {log = log ++ "c"}
  Else
    Calc {log = log ++ "d"}
  Calc {log = log ++ ","}
  WhileLoop {x = x + 1}
If {x == 99}
  Calc {log = log ++ "never"}
If {FALSE}
  If {TRUE}
    Calc {log = log ++ "never"}
  Else
    Calc {log = log ++ "never"}
Else
  Calc {log = log ++ "e"}
VarNew "i" type=int
VarNew "odd" type=int
VarNew "turns" type=int
While {TRUE}
  Calc {i = i + 1}
  Break {i > 9}
  Continue {i % 2 == 0}
  Calc {odd = odd + i}
  WhileLoop {turns = turns + 1}
Jump "second.nsb" index=1 cond={TRUE}
Calc {log = log ++ "never"}
