page version=116 result=int
Calc {log = log ++ "never"}
Label "L2"
Calc {log = log ++ "[" ++ @Sender ++ ":" ++ @ParamStr[0] ++ "]"}
