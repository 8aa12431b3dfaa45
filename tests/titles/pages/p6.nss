page version=116 result=int
Calc {trail = trail ++ "6"}
Jump "p7.nsb" cond={TRUE}
