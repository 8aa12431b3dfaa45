page version=116 result=int
Calc {trail = trail ++ "4"}
Jump "p5.nsb" cond={TRUE}
