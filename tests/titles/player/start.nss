page version=116 result=int
VarNew "clicks" type=int value={0}
VarNew "pushed" type=int value={0}
VarNew "keyhits" type=int value={0}
VarNew "wheels" type=int value={0}
VarNew "updates" type=int value={0}
VarNew "when" type=str value={IntToStr(@Year) ++ "-" ++ IntToStr(@Month) ++ "-" ++ IntToStr(@Day) ++ " " ++ IntToStr(@Hour) ++ ":" ++ IntToStr(@Min) ++ ":" ++ IntToStr(@Sec)}
VarNew "week" type=int value={@Week}
VarNew "firstrandom" type=int value={Random(1000000)}
VarNew "screen" type=str value={IntToStr(@ScrWidth) ++ "x" ++ IntToStr(@ScrHeight) ++ " " ++ @Title}
Calc {SetProp("", 8, 255)}
VarNew "boxclicks" type=int value={0}
VarNew "boxarg" type=str value={""}
VarNew "twice" type=int value={0}
VarNew "argc" type=int value={0}
VarNew "depth" type=int value={0}
Call "twice.nsb" result="twice" args=[{21}, {"x"}]
BoxNew PR_NAME={"box"} PR_LEFT={100} PR_TOP={70} PR_WIDTH={40} PR_HEIGHT={30} PR_COLOR={16777215} PR_ALPHA={128} PR_ONLBTNDOWN={"boxclick.nsb"}
Label "loop"
If {@LPush}
  If {pushed == 0}
    Calc {clicks = clicks + 1}
    Calc {SetProp("", 8, 65280)}
Calc {pushed = @LPush}
If {@KeyClick[13]}
  Calc {keyhits = keyhits + 1}
  Calc {SetProp("", 8, 16711680)}
If {@KeyClick[27]}
  Terminate
If {@WheelUp}
  Calc {wheels = wheels + 1}
Calc {updates = @UpdateCount}
Wait time={1}
Jump "start.nsb" label=loop
