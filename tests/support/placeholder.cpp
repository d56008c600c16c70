namespace velan_testsupport_placeholder {
int unused = 0;
}
