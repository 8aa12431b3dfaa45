page version=116 result=int
# A room, and a girl coming into it under the frame of the message window.
# The window is made once and parked in a cabinet whenever the screens flip,
# so that it never shows in a transition: it steps aside, the room changes,
# and it comes back. A click (or about four seconds) turns the day into
# evening; another (or about four seconds more) opens a menu whose choice
# goes back to the title.
Calc {clicked = 0}
ImgNew PR_NAME={"room"} PR_PARENT={"\x{01}"} PR_SOURCE={"pic\room.pel"}
ImgNew PR_NAME={"girl"} PR_PARENT={"\x{01}"} PR_SOURCE={"pic\girl.pel"} PR_LEFT={210} PR_TOP={84} PR_ALPHA={0} PR_PRIORITY={10}
BoxNew PR_NAME={"window"} PR_PARENT={"\x{01}"} PR_LEFT={24} PR_TOP={344} PR_WIDTH={592} PR_HEIGHT={120} PR_COLOR={4202504} PR_ALPHA={168} PR_BORDERWIDTH={2} PR_BORDERCOLOR={15263976} PR_PRIORITY={50}
BoxNew PR_NAME={"catch"} PR_PARENT={"\x{01}"} PR_WIDTH={640} PR_HEIGHT={480} PR_COLOR={-1} PR_PRIORITY={100} PR_ONLBTNDOWN={"click.nsb"}
# The room comes in without the window; then the window, at once.
SaveCabinet PR_NAME={"shelf"} names=[{"window"}]
Flip {4} duration={600} mode={1} freeold={TRUE}
LoadCabinet PR_NAME={"shelf"} names=[{"window"}]
Flip {1} duration={240} mode={0}
# The girl fades in.
WhileInit {t = 0}
While {clicked == 0 & t < 120}
  If {t < 32}
    SetProp {"girl"} prop=PR_ALPHA value={t * 8}
  Else
    SetProp {"girl"} prop=PR_ALPHA value={255}
  Wait time={32}
  WhileLoop {t = t + 1}
# Evening: the window steps aside (everything else goes to the back screen;
# the window stays on the outgoing one and is parked from there), the
# evening room comes in through black with the girl, and the window comes
# back.
Calc {clicked = 0}
Flip {1} duration={240} mode={0} names=[{"window"}]
SaveCabinet PR_NAME={"shelf"} names=[{"window"}]
ImgNew PR_NAME={"dusk"} PR_PARENT={"\x{01}"} PR_SOURCE={"pic\room-evening.pel"}
Flip {13} duration={900} mode={1} names=[{"girl"}, {"catch"}] freeold={TRUE}
LoadCabinet PR_NAME={"shelf"} names=[{"window"}]
Flip {1} duration={240} mode={0}
WhileInit {t = 0}
While {clicked == 0 & t < 120}
  Wait time={32}
  WhileLoop {t = t + 1}
# A framed menu asks what comes next: it opens with its animation, shows a
# check mark and a scroll bar, and highlights the row under the mouse or
# the arrow keys; any choice, the right button or Escape goes back to the
# title.
Calc {chosen = -2}
Menu PR_NAME={"choice"} PR_LEFT={372} PR_TOP={96} PR_TEXT={"タイトルへ戻る\x{0D}\x{0A}もう少しここにいる\x{0D}\x{0A}窓を開ける\x{0D}\x{0A}お茶を淹れる\x{0D}\x{0A}本を読む\x{0D}\x{0A}星を見る"} PR_ROWCOUNT={4} PR_FONTHEIGHT={20} PR_FONTCOLOR={11856122} PR_FONTHOVERCOLOR={16777215} PR_HOVERCOLOR={3947630} PR_COLOR={3415588} PR_MARGINX={8} PR_MARGINY={6} PR_LINESPACE={6} PR_BORDERSOURCETL={"pic\menu-corner.pel"} PR_BORDERSOURCETC={"pic\menu-hedge.pel"} PR_BORDERSOURCETR={"pic\menu-corner.pel"} PR_BORDERSOURCECL={"pic\menu-vedge.pel"} PR_BORDERSOURCECC={"pic\menu-centre.pel"} PR_BORDERSOURCECR={"pic\menu-vedge.pel"} PR_BORDERSOURCEBL={"pic\menu-corner.pel"} PR_BORDERSOURCEBC={"pic\menu-hedge.pel"} PR_BORDERSOURCEBR={"pic\menu-corner.pel"} PR_SCROLLSOURCE={"pic\menu-scroll.pel"} PR_CHECKSOURCE={"pic\menu-check.pel"} PR_DELAY={400} PR_AUTOSCRAP={TRUE} PR_RCLICKSCRAP={TRUE} PR_HANDLEKEY={TRUE} PR_PRIORITY={200} PR_ONSELECT={"choose.nsb"} PR_ONCLOSED={"closed.nsb"}
Calc {SetCheck("choice", 1, TRUE)}
WhileInit {t = 0}
While {chosen == -2 & t < 400}
  Wait time={32}
  WhileLoop {t = t + 1}
Calc {kind = 31}
Jump "start.nsb"
