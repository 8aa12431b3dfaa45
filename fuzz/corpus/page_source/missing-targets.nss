page version=116 result=int
While {x}
  If {y}
    WhileLoop
Break {z}
  Continue
WhileLoop {i = i + 1}
Jump "start.nsb" label=nowhere
SetProp {"a"} prop=PR_NOPE value={1}
Calc {s = "日本" ++ (x}
