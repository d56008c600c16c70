namespace velan_platform_placeholder {
int unused = 0;
}
