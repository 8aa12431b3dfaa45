page version=116 result=int
Calc {trail = trail ++ "1"}
Jump "p2.nsb" cond={TRUE}
