#pragma once
// The only layer that includes OS headers; the rest of the program sees these interfaces.
namespace vexo::platform {}
