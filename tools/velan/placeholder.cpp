namespace velan_tool_placeholder {
int unused = 0;
}
