page version=116 result=int
# A click anywhere on the screen: the page waiting for it goes on.
Calc {clicked = 1}
