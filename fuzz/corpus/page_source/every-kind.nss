page version=116 result=str
If {x > 3}
  Elseif {x == 2} @disabled
  Else @runon=0
Label "top"
Jump "b.nsb" index=4 cond={y <> 0}
Call "sub.nsb" index=2 result="r" cond={TRUE} args=[{1}, {"two"}, {x * 2}]
Exit {done}
Wait {ready} time={1000} blocked={TRUE}
BoxNew PR_NAME={"box"} PR_WIDTH={100}
ImgNew PR_NAME={"bg"} PR_SOURCE={"bg\room.png"} PR_DELAY={50}
MesNew PR_NAME={"mes"}
Timer PR_NAME={"t"}
Movie PR_SOURCE={"m.mpg"}
Flip {3} duration={500} reverse={FALSE} mode={1} names=[{"a"}, {"b"}] freeold={TRUE} parama={1} paramb={2} mask={"m.png"} blocked={TRUE}
Calc {a = (b + 1) * 2}
VarNew "v" type=str value={"x"} scope=status
VarDel "v"
GetProp {"bg"} prop={3} var="left"
SetProp {"bg"} prop={3} value={10}
ObjDel {"bg"}
TextIns "こんにちは\r\n[b]世界[/b]" box={"mes"} readmark={TRUE} wait={TRUE} blocked={FALSE}
MovieStop {"m"} fade={500} wait={TRUE} blocked={TRUE}
ClrHist
Cinema PR_NAME={"c"}
Caption PR_NAME={"cap"}
Menu PR_NAME={"menu"}
MenuClose {"menu"}
Comment "a note"
TextClr {"mes"}
CallHist {"mes"} first={5} count={2} flag={TRUE} format={"f"}
Button PR_NAME={"b1"}
While {i < 10} end=40
WhileInit {i = 0}
WhileLoop {i = i + 1} start=37
Break {i == 5} target=41
Continue {i == 3} target=-1
ParticleNew PR_NAME={"p"}
FireNew PR_NAME={"f"}
GameSave {3} page="after.nsb" index=2 caption={"slot"}
GameLoad {3}
PCReset "start.nsb" index=1 all=1
Reset "start.nsb" index=1
Sound PR_SOURCE={"se.wav"}
EditNew PR_NAME={"e"}
MemoNew PR_NAME={"memo"}
Terminate
DoEvent
ClrRead
MapImgNew PR_NAME={"map"}
WaveNew PR_NAME={"w"}
TileNew PR_NAME={"tile"}
SliderNew PR_NAME={"s"}
ScrollbarNew PR_NAME={"sb"}
GaugeNew PR_NAME={"g"}
CGCaption PR_NAME={"cg"}
MediaPlay {"m"}
PrevMenuNew PR_NAME={"pm"}
PropMotion {"pm1"} target={"bg"} prop={3} value={1.5} duration={300} curve={2} paused={TRUE}
FormatHist {"mes"} format={"f"}
SaveCabinet PR_NAME={"cab"} mode={TRUE} names=[{"bg"}]
LoadCabinet PR_NAME={"cab"} names=[{"bg"}, {"mes"}]
