page version=116 result=int
Calc {log = log ++ "never"}
Call "sub.nsb" result="made" cond={TRUE} args=[{7}, {"two"}, {}]
Call "quote.nsb" result="quoted" cond={TRUE}
VarNew "existing" type=int value={5}
Call "number.nsb" result="existing" cond={TRUE}
Call "sub.nsb" result="skipped" cond={FALSE}
Call "exits.nsb" cond={TRUE}
PCReset "third.nsb" index=1
Calc {log = log ++ "never"}
