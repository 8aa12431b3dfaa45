page version=116 result=int
VarNew "after" type=int value={0}
Wait time={1}
Call "extra\\more.nsb"
Calc {after = 1}
Wait
