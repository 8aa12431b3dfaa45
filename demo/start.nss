page version=116 result=int
# The title screen, built on the back screen and flipped in: a tiled
# background scrolling diagonally, the logo fading in, a blinking hint.
# A click (or about five seconds) goes on to the scene.
Calc {clicked = 0}
TileNew PR_NAME={"bg"} PR_PARENT={"\x{01}"} PR_SOURCE={"pic\pattern.pel"} PR_WIDTH={640} PR_HEIGHT={480}
ImgNew PR_NAME={"logo"} PR_PARENT={"\x{01}"} PR_SOURCE={"pic\logo.pel"} PR_LEFT={320} PR_TOP={170} PR_OFFSETX={191} PR_OFFSETY={66} PR_ALPHA={0} PR_PRIORITY={10}
ImgNew PR_NAME={"subtitle"} PR_PARENT={"\x{01}"} PR_SOURCE={"pic\subtitle.pel"} PR_LEFT={188} PR_TOP={262} PR_PRIORITY={10}
ImgNew PR_NAME={"hint"} PR_PARENT={"\x{01}"} PR_SOURCE={"pic\click.pel"} PR_LEFT={275} PR_TOP={380} PR_PRIORITY={10}
BoxNew PR_NAME={"catch"} PR_PARENT={"\x{01}"} PR_WIDTH={640} PR_HEIGHT={480} PR_COLOR={-1} PR_PRIORITY={100} PR_ONLBTNDOWN={"click.nsb"}
Flip {kind} duration={600} mode={1} freeold={TRUE}
WhileInit {t = 0}
While {clicked == 0 & t < 150}
  SetProp {"bg"} prop=PR_SCROLLX value={t}
  SetProp {"bg"} prop=PR_SCROLLY value={t / 2}
  If {t < 32}
    SetProp {"logo"} prop=PR_ALPHA value={t * 8}
  Else
    SetProp {"logo"} prop=PR_ALPHA value={255}
  SetProp {"hint"} prop=PR_VISIBLE value={t % 40 < 20}
  Wait time={32}
  WhileLoop {t = t + 1}
Jump "scene.nsb"
