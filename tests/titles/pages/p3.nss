page version=116 result=int
Calc {trail = trail ++ "3"}
Jump "p4.nsb" cond={TRUE}
