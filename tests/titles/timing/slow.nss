page version=116 result=int
Calc {log = log ++ "<"}
Wait time={160}
Calc {log = log ++ ">"}
