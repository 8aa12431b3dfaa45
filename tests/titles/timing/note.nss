page version=116 result=int
Calc {log = log ++ "h"}
