// The identifiers of every command the viewer offers. The numbers are those of
// the original product's resources, so a table entry, a menu item, a toolbar
// slot and an accelerator all name the same command by the same number.
#pragma once

#include <cstdint>

namespace pagora::viewer {

enum class CommandId : std::uint16_t {
  GoBack = 32771,
  GoForward = 32772,
  GoHome = 32773,
  ViewStop = 32776,
  ViewRefresh = 32777,
  SelectAll = 32784,
  FontLargest = 32787,
  FontLarger = 32788,
  FontMedium = 32789,
  FontSmaller = 32790,
  FontSmallest = 32791,
  // Find in the page and search the book: the viewer's own, from 33000.
  EditFind = 33000,
  EditFindNext = 33001,
  EditFindPrevious = 33002,
  EditSearchBook = 33003,
  FilePrintSetup = 57606,
  FilePrint = 57607,
  EditCopy = 57634,
  AppAbout = 57664,
  AppExit = 57665,
  ViewToolbar = 59392,
  ViewStatusBar = 59393,
};

}  // namespace pagora::viewer
