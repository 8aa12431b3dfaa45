page version=116 result=int
Label "intro"
Calc {n = n + 1}
Label "その後"
Jump "start.nsb" label=intro cond={n < 3}
Call "START.NSB" label="その後" result="r"
PCReset "start.nsb" label=intro all=1
Reset "start.nsb" label=intro
GameSave {1} page="start.nsb" label=その後 caption={"x"}
Jump "other.nsb" index=4
