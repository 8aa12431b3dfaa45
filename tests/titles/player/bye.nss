page version=116 result=int
VarNew "farewell" type=int value={@UpdateCount}
