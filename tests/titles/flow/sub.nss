page version=116 result=str
VarNew "loc" type=int value={1} scope=local
Calc {@Result = @ParamStr[0] ++ "/" ++ @ParamStr[1] ++ "/" ++ @ParamCount}
