page version=116 result=int
# The menu has closed (after a choice, a right click or Escape).
Calc {chosen = @SelIndex}
