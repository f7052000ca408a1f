// The control table: what a designer could get wrong and the user would see.
#include "app/form_layout.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <set>
#include <string>

namespace quillset {
namespace {

using platform::ControlKind;

TEST(FormLayout, EveryControlLiesInsideItsPage) {
  const platform::FormSpec& form = FormMainLayout();
  for (const platform::ControlSpec& control : form.controls) {
    if (control.hidden)
      continue;
    const platform::FrameSpec* page = nullptr;
    for (const platform::FrameSpec& frame : form.frames) {
      if (frame.id == control.page)
        page = &frame;
    }
    ASSERT_NE(page, nullptr) << control.name;
    EXPECT_GE(control.left, 0) << control.name;
    EXPECT_GE(control.top, 0) << control.name;
    EXPECT_LE(control.left + control.width, page->width) << control.name;
    EXPECT_LE(control.top + control.height, page->height) << control.name;
  }
}

TEST(FormLayout, PagesFitTheClientAreaAndShareOnePlace) {
  const platform::FormSpec& form = FormMainLayout();
  ASSERT_EQ(form.frames.size(), 4u);
  for (const platform::FrameSpec& frame : form.frames) {
    EXPECT_LE(frame.left + frame.width, form.client_width) << frame.name;
    EXPECT_EQ(frame.width, form.frames[0].width);
    EXPECT_EQ(frame.height, form.frames[0].height);
  }
  EXPECT_EQ(form.frames.front().id, platform::ControlId::Frame_installationOK);
  EXPECT_EQ(form.frames.back().id, platform::ControlId::Frame_installationWarten);
}

TEST(FormLayout, TabIndicesAreUniqueAcrossTheWindow) {
  std::set<int> seen;
  for (const platform::ControlSpec& control : FormMainLayout().controls) {
    EXPECT_TRUE(seen.insert(control.tab_index).second) << control.name;
  }
}

TEST(FormLayout, AccessKeysAreUniqueOnEachPage) {
  std::map<platform::ControlId, std::set<char>> keys;
  for (const platform::ControlSpec& control : FormMainLayout().controls) {
    if (control.kind != ControlKind::Button)
      continue;
    const std::string text = control.text;
    const auto amp = text.find('&');
    if (amp == std::string::npos || amp + 1 >= text.size())
      continue;
    const char key = static_cast<char>(std::tolower(static_cast<unsigned char>(text[amp + 1])));
    EXPECT_TRUE(keys[control.page].insert(key).second) << control.name;
  }
}

}  // namespace
}  // namespace quillset
