page version=116 result=int
Calc {trail = trail ++ "A"}
Wait
