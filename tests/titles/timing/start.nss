page version=116 result=int
VarNew "done" type=int
Wait time={1000}
Calc {done = 1}
DoEvent
Calc {done = 2}
Wait {done == 5} time={500}
Calc {done = 3}
Wait
Calc {done = 4}
