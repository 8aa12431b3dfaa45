page version=116 result=float
Calc {@Result = 42.0}
