page version=116 result=int
Calc {trail = trail ++ "9"}
Jump "p10.nsb" cond={TRUE}
