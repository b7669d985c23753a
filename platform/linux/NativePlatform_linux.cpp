#include "platform/Platform.h"

namespace quenno::platform {

struct NativePlatform::Parts {};

NativePlatform::NativePlatform() : m_parts(std::make_unique<Parts>()) {}
NativePlatform::~NativePlatform() = default;

} // namespace quenno::platform
