page version=116 result=int
Calc {log = log ++ "never"}
VarNew "restarted" type=bool value={TRUE}
Terminate
Calc {log = log ++ "never"}
