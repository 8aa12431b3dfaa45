page version=116 result=int
VarNew "x" type=int value={7}
VarNew "y" type=int value={5}
VarNew "s" type=str value={"abc"}
VarNew "log" type=str value={""}
Calc raw{ocFunc x := #200(s, 1)}
Calc raw{ocFunc ____0 := #161(); ocTo y := ____0}
Calc raw{ocTo log := "a"; ocFunc ____0 := Copy(s); ocTo x := ____0}
Calc raw{ocFunc ____0 := Copy(s, 1, 2, 3); ocTo x := ____0}
If raw{ocFunc ____0 := Length(); ocTo ____arg := ____0}
  Calc {log = log ++ "never"}
Else
  Calc {log = log ++ "b"}
Calc {log = log ++ "c"}
