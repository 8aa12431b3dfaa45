page version=116 result=int
PCReset "start.nsb" index=8
VarNew "handled" type=int value={1}
