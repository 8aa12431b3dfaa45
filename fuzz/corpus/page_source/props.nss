page version=116 result=int
GetProp {"bg"} prop=PR_SCROLLX var="x"
SetProp {"bg"} prop=PR_BLURDELAY value={x + 1}
SetProp {"bg"} prop={PR_LEFT} value={1}
SetProp {"bg"} prop={165} value={2}
PropMotion {"m"} target={"bg"} prop=PR_NAME value={1} duration={300}
