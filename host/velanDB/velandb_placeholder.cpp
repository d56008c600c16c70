namespace velandb_placeholder {
int core = 0;
}
