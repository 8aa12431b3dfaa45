page version=116 result=int
Calc {boxclicks = boxclicks + 1}
Calc {boxarg = @ParamStr[0] ++ "," ++ @ParamStr[1] ++ " " ++ @Sender}
