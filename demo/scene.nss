page version=116 result=int
# A scene of layered pictures: a sky strip tiled sideways, a sun that rises
# and fades in, hills and a tree over it, a flapping bird (a multi-frame
# image) that leaves afterimages, a twinkling sparkle added to what lies
# below, a half-transparent band. A click (or about 8 seconds) goes on to
# the story.
Calc {clicked = 0}
TileNew PR_NAME={"sky"} PR_PARENT={"\x{01}"} PR_SOURCE={"pic\sky.pel"} PR_WIDTH={640} PR_HEIGHT={480}
ImgNew PR_NAME={"sun"} PR_PARENT={"\x{01}"} PR_SOURCE={"pic\sun.pel"} PR_LEFT={80} PR_TOP={200} PR_OFFSETX={48} PR_OFFSETY={48} PR_ALPHA={0} PR_PRIORITY={5}
ImgNew PR_NAME={"hills"} PR_PARENT={"\x{01}"} PR_SOURCE={"pic\hills.pel"} PR_LEFT={0} PR_TOP={320} PR_PRIORITY={10}
ImgNew PR_NAME={"tree"} PR_PARENT={"\x{01}"} PR_SOURCE={"pic\tree.pel"} PR_LEFT={470} PR_TOP={300} PR_PRIORITY={20}
ImgNew PR_NAME={"bird"} PR_PARENT={"\x{01}"} PR_SOURCE={"pic\bird.pel"} PR_LEFT={-60} PR_TOP={120} PR_REPEAT={TRUE} PR_BLURSPAN={80} PR_BLURDELAY={320} PR_PRIORITY={30}
ImgNew PR_NAME={"star"} PR_PARENT={"\x{01}"} PR_SOURCE={"pic\star.pel"} PR_LEFT={560} PR_TOP={70} PR_OFFSETX={16} PR_OFFSETY={16} PR_ALPHA={400} PR_ZOOMX={512} PR_ZOOMY={512} PR_PRIORITY={40}
BoxNew PR_NAME={"band"} PR_PARENT={"\x{01}"} PR_LEFT={40} PR_TOP={404} PR_WIDTH={560} PR_HEIGHT={52} PR_COLOR={0} PR_ALPHA={128} PR_BORDERWIDTH={2} PR_BORDERCOLOR={16777215} PR_PRIORITY={50}
ImgNew PR_NAME={"hint"} PR_PARENT={"\x{01}"} PR_SOURCE={"pic\click.pel"} PR_LEFT={275} PR_TOP={420} PR_PRIORITY={60}
BoxNew PR_NAME={"catch"} PR_PARENT={"\x{01}"} PR_WIDTH={640} PR_HEIGHT={480} PR_COLOR={-1} PR_PRIORITY={100} PR_ONLBTNDOWN={"click.nsb"}
Flip {2} duration={700} mode={1} freeold={TRUE}
WhileInit {t = 0}
While {clicked == 0 & t < 250}
  SetProp {"sky"} prop=PR_SCROLLX value={t / 2}
  SetProp {"sun"} prop=PR_LEFT value={80 + t}
  SetProp {"sun"} prop=PR_TOP value={200 - t / 3}
  If {t < 64}
    SetProp {"sun"} prop=PR_ALPHA value={t * 4}
  SetProp {"bird"} prop=PR_LEFT value={t * 3 % 760 - 60}
  SetProp {"star"} prop=PR_ZOOMX value={320 + t % 32 * 8}
  SetProp {"star"} prop=PR_ZOOMY value={320 + t % 32 * 8}
  Wait time={32}
  WhileLoop {t = t + 1}
Jump "story.nsb"
