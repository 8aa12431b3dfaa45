page version=116 result=int
Calc {SetProp("", 8, 8421504)}
BoxNew PR_NAME={"box"} PR_LEFT={200} PR_TOP={150} PR_WIDTH={240} PR_HEIGHT={180} PR_COLOR={16777215} PR_ALPHA={160}
Wait
