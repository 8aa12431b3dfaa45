page version=116 result=int
VarNew "log" type=str value={""}
Wait
