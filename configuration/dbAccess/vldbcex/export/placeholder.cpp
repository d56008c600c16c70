namespace vldbcex_placeholder {
int unused = 0;
}
