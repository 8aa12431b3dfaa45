page version=116 result=int
VarNew "log" type=str value={""}
Calc {log = log ++ "B"}
Wait time={160} blocked={TRUE}
Calc {log = log ++ "b"}
Wait
