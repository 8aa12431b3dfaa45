page version=116 result=int
PCReset "start.nsb" index=8 all=1
VarNew "handled" type=int value={1}
