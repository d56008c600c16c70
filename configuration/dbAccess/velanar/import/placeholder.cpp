namespace velanar_placeholder {
int unused = 0;
}
