page version=116 result=int
# A window (a frame with a line inside) and a face on the incoming screen;
# the window is parked, the outgoing screen's own box goes with the Flip.
BoxNew PR_NAME={"frame"} PR_PARENT={"\x{01}"} PR_LEFT={10} PR_TOP={70} PR_WIDTH={140} PR_HEIGHT={40} PR_COLOR={16777215} PR_ALPHA={128}
BoxNew PR_NAME={"line"} PR_PARENT={"frame"} PR_LEFT={8} PR_TOP={8} PR_WIDTH={100} PR_HEIGHT={4} PR_COLOR={0}
ImgNew PR_NAME={"face"} PR_PARENT={"\x{01}"} PR_SOURCE={"pic\face.pel"} PR_LEFT={68} PR_TOP={20} PR_PRIORITY={5}
SaveCabinet PR_NAME={"window"} names=[{"frame"}]
BoxNew PR_NAME={"old"} PR_WIDTH={160} PR_HEIGHT={120} PR_COLOR={255}
Flip {1} duration={100} mode={1} freeold={TRUE}
VarNew "flips" type=int value={1}
# Back onto the incoming screen: the emptied cabinet goes.
LoadCabinet PR_NAME={"window"} mode={TRUE}
Flip duration={0} mode={0}
Calc {flips = flips + 1}
# Nothing chosen: no cabinet stays; a spare box stays parked.
SaveCabinet PR_NAME={"empty"} names=[{"nobody"}]
BoxNew PR_NAME={"spare"} PR_PARENT={"\x{01}"} PR_WIDTH={8} PR_HEIGHT={8}
SaveCabinet PR_NAME={"shelf"} mode={FALSE} names=[{"spare"}]
PropMotion name={"fade"} target={"face"} prop=PR_ALPHA value={0} duration={500}
PropMotion name={"broken"} target={"face"} value={0}
MesNew PR_NAME={"mes"} PR_LEFT={10} PR_TOP={70}
MesNew PR_NAME={"mes2"}
VarNew "done" type=int value={1}
Wait time={100}
Terminate
