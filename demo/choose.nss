page version=116 result=int
# The menu's choice: the row chosen is in @SelIndex and @SelStr.
Calc {picked = @SelIndex}
