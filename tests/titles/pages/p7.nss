page version=116 result=int
Calc {trail = trail ++ "7"}
Jump "p8.nsb" cond={TRUE}
