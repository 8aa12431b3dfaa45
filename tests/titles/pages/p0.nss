page version=116 result=int
VarNew "trail" type=str value={""}
Calc {trail = trail ++ "0"}
Jump "p1.nsb" cond={TRUE}
