// Exported functions of the reference host database (placeholder).
namespace velandb_placeholder {
int exported = 0;
}
