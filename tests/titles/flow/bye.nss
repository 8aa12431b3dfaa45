page version=116 result=int
Calc {log = log ++ "!"}
Wait
Calc {log = log ++ "never"}
