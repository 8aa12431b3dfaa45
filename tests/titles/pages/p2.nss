page version=116 result=int
Calc {trail = trail ++ "2"}
Jump "p3.nsb" cond={TRUE}
