#pragma once
// The texts of the reader's error codes.
#include <cstdint>

#include "LanguageEntries.h"

// Communication error codes with a text of their own; null: the code alone.
const TLangEntry* CommErrorText(std::uint8_t code);
// Reader error codes with a text of their own; null: the code alone.
const TLangEntry* VexoErrorText(std::uint8_t code);
// The RFID errors that are retried while a tag measurement is young.
bool IsRFIDErrorGroup(std::uint8_t code);
