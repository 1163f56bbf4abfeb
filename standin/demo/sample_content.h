#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "standin/store/content_area.h"

namespace nubexa::standin {

using Rgb = std::array<std::uint8_t, 3>;

// A PNG picture (8-bit RGB) drawn pixel by pixel.
std::string makePng(int width, int height, const std::function<Rgb(int x, int y)>& pixel);

// A round face in a colour chosen from the seed: the avatar every account starts with.
std::string makeAvatarPng(std::int64_t seed);

// Writes the account's starting avatar unless it has one.
Outcome ensureAvatar(const ContentArea& content, std::int64_t accountId);

// The program's icon (a cloud with an upward arrow on a blue tile), `size` pixels square,
// on white: what the site answers for /favicon.ico.
std::string makeProgramIconPng(int size);

// A small sea-side picture for the demo disk.
std::string makeSeasidePng();

// A one-page PDF showing a few lines of ASCII text.
std::string makePdf(const std::string& title, const std::string& line);

// Bytes that look random but are the same on every run.
std::string makeNoise(std::size_t size, std::uint32_t seed);

}  // namespace nubexa::standin
