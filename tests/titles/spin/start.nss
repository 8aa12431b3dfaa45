page version=116 result=int
VarNew "n" type=int value={0}
Label "top"
Calc {n = n + 1}
Jump "start.nsb" label=top
