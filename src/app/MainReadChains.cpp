// Reading and writing the reader's memory block by block.
#include "Main.h"

// Filled with the memory transfer work.
void TForm_Main::HandleDataRead(std::uint8_t, std::uint32_t, tByteBuffer&) {}

void TForm_Main::HandleWriteSuccess(std::uint8_t, std::uint32_t, std::int32_t) {}
