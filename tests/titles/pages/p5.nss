page version=116 result=int
Calc {trail = trail ++ "5"}
Jump "p6.nsb" cond={TRUE}
