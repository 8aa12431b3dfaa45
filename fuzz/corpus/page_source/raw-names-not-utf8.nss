page version=116
Calc raw{ocFunc a := Lengthÿ÷(1)}
Calc raw{ocTo a := TRUEÿ÷}
