page version=116 result=str
Calc {@Result = "say \"hi\" \\ back"}
