#include "ui/window_model.h"

#include <gtest/gtest.h>

#include "frontends/headless/headless_window_system.h"

namespace norvel {
namespace {

struct Recorder : EventHandler {
  std::vector<std::string> events;
  std::function<void(Control&, EventKind, int)> also;
  void handleEvent(Control& c, EventKind kind, int argument) override {
    const char* k = kind == EventKind::change  ? "change"
                    : kind == EventKind::click ? "click"
                                               : "unload";
    events.push_back(c.name() + ":" + k +
                     (c.name() == "tabs" ? ":" + std::to_string(argument) : ""));
    if (also) also(c, kind, argument);
  }
};

class WindowModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    add("window", ControlKind::window, "", -1);
    add("tabs", ControlKind::tabContainer, "window", -1);
    add("box", ControlKind::textBox, "window", -1);
    add("onTab1", ControlKind::textBox, "tabs", 1);
    add("list", ControlKind::listBox, "window", -1);
    add("combo", ControlKind::comboBox, "window", -1);
    add("label", ControlKind::label, "window", -1);
    form.setTabContainer(&form.control("tabs"));
    form.linkContainers();
    form.setEventHandler(&recorder);
    form.show();
    windows.attach(form);
  }
  void add(const char* name, ControlKind kind, const char* container, int tab) {
    Control::Inventory inv;
    inv.name = name;
    inv.kind = kind;
    inv.container = container;
    inv.tab = tab;
    form.add(inv);
  }
  Control& c(const char* name) { return form.control(name); }

  Form form;
  Recorder recorder;
  HeadlessWindowSystem windows;
};

TEST_F(WindowModelTest, TextChangeRaisedOnlyWhenTheTextDiffers) {
  c("box").setText("a");
  c("box").setText("a");
  c("box").setText("");
  c("box").appendText("x");
  c("box").appendText("");
  EXPECT_EQ(recorder.events, (std::vector<std::string>{"box:change", "box:change", "box:change"}));
  EXPECT_EQ(c("box").text(), "x");
}

TEST_F(WindowModelTest, ListSelectionRaisesClickAndAppendingKeepsIt) {
  Control& list = c("list");
  list.addItem("a");
  list.addItem("b");
  EXPECT_TRUE(recorder.events.empty());
  list.setSelectedIndex(1);
  list.addItem("c");
  EXPECT_EQ(list.selectedIndex(), 1);
  EXPECT_EQ(recorder.events, std::vector<std::string>{"list:click"});
  list.removeItem(0);
  EXPECT_EQ(list.selectedIndex(), 0);
  EXPECT_EQ(list.currentText(), "b");
  list.removeItem(0);
  EXPECT_EQ(list.selectedIndex(), -1);
  list.clear();
  EXPECT_EQ(list.itemCount(), 0);
}

TEST_F(WindowModelTest, TabChangeRaisesClickWithThePreviousTab) {
  form.setCurrentTab(2);
  form.setCurrentTab(2);
  form.setCurrentTab(0);
  EXPECT_EQ(recorder.events, (std::vector<std::string>{"tabs:click:0", "tabs:click:2"}));
}

TEST_F(WindowModelTest, FocusRefusedForDisabledHiddenAndLabels) {
  EXPECT_THROW(c("onTab1").setFocus(), FocusError);  // tab 0 is current
  form.setCurrentTab(1);
  EXPECT_NO_THROW(c("onTab1").setFocus());
  EXPECT_EQ(form.focus(), &c("onTab1"));
  EXPECT_THROW(c("label").setFocus(), FocusError);
  c("box").setEnabled(false);
  EXPECT_THROW(c("box").setFocus(), FocusError);
  // Disabling the focused control leaves the window without a focused control.
  c("onTab1").setEnabled(false);
  EXPECT_EQ(form.focus(), nullptr);
}

TEST_F(WindowModelTest, F4OpensTheFocusedDropDownOnlyWhenEventsAreProcessed) {
  recorder.also = [&](Control& control, EventKind, int) {
    if (control.name() == "box") {
      c("combo").setFocus();
      windows.requestDropDown();
      EXPECT_FALSE(c("combo").droppedDown());
    }
  };
  form.userTypes(c("box"), "go");
  EXPECT_FALSE(c("combo").droppedDown());
  windows.processPendingEvents();
  EXPECT_TRUE(c("combo").droppedDown());
}

TEST_F(WindowModelTest, UserInputIgnoredForDisabledControlsAndAfterTermination) {
  c("box").setEnabled(false);
  form.userTypes(c("box"), "x");
  form.userClicks(c("box"));
  EXPECT_TRUE(recorder.events.empty());
  c("box").setEnabled(true);
  form.terminate();
  form.userTypes(c("box"), "x");
  form.userCloses();
  c("list").addItem("a");
  c("list").setSelectedIndex(0);
  EXPECT_TRUE(recorder.events.empty());
}

TEST_F(WindowModelTest, QueuedEventsWaitForTheNextProcessing) {
  int delivered = 0;
  windows.queueEvent([&] {
    ++delivered;
    windows.queueEvent([&] { ++delivered; });
  });
  windows.processPendingEvents();
  EXPECT_EQ(delivered, 1);
  windows.processPendingEvents();
  EXPECT_EQ(delivered, 2);
}

}  // namespace
}  // namespace norvel
