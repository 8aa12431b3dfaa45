page version=116 result=int
Exit {FALSE}
Calc {log = log ++ "x"}
Exit {TRUE}
Calc {log = log ++ "never"}
