page version=116 result=int
Label "top"
VarNew "count" type=int value={0}
ImgNew PR_NAME={"bg"} PR_SOURCE={"bg\room.pel"} PR_LEFT={0} PR_TOP={0}
MesNew PR_NAME={"mes"} PR_LEFT={20} PR_TOP={360} PR_WIDTH={600} PR_HEIGHT={100}
TextIns "こんにちは、[b]世界[/b]\r\nまた明日" box={"mes"} wait={TRUE}
Call "sub.nsb" result="r" args=[{score}, {hero ++ "さん"}]
If {r > 10}
  Calc {count = count + 1}
Else
  Calc {count = -1}
Wait time={500}
Jump "start.nsb" cond={count < 3}
