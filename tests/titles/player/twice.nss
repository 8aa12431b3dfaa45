page version=116 result=int
Calc {argc = @ParamCount}
Calc {depth = @StackCount}
Calc {@Result = @ParamStr[0] * 2}
