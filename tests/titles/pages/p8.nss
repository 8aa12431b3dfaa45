page version=116 result=int
Calc {trail = trail ++ "8"}
Jump "p9.nsb" cond={TRUE}
