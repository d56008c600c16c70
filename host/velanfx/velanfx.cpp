// Configuration reader (placeholder until the configuration issue).
namespace velanfx_placeholder {
int unused = 0;
}
