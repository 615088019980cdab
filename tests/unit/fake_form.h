#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/error.h"
#include "window/design.h"
#include "window/form_controls.h"
#include "window/rows.h"

namespace brantel::testing {

// The window as plain data: control arrays with positions, visibility and label texts, and a
// log of every operation in the order it was made; `timeline`, when set, also receives it, so that
// a test can order the window's operations against the system's.
class FakeForm : public FormControls {
 public:
  struct Element {
    Twips left = 0, top = 0;
    bool visible = false;
  };

  FakeForm() {
    for (const ControlDesign& design : FrmMainControls()) {
      elements_[{design.name, 0}] = Element{design.left, design.top, design.visible};
    }
    labels_[0] = std::string(DesignOf(ControlName::lblCom).text);
  }

  Twips Left(ControlName array, ComponentIndex index) override {
    Log("left", array, index);
    return At(array, index).left;
  }
  Twips Top(ControlName array, ComponentIndex index) override {
    Log("top", array, index);
    return At(array, index).top;
  }
  void Move(ControlName array, ComponentIndex index, Twips left, Twips top) override {
    Log("move", array, index);
    Element& element = At(array, index);
    element.left = left;
    element.top = top;
  }
  void SetVisible(ControlName array, ComponentIndex index, bool visible) override {
    Log(visible ? "show" : "hide", array, index);
    At(array, index).visible = visible;
  }
  void CreateElement(ControlName array, ComponentIndex index) override {
    Log("create", array, index);
    if (elements_.contains({array, index})) throw Error(error_code::kInvalidArgument, "exists");
    Element copy = At(array, 0);
    copy.visible = false;
    elements_[{array, index}] = copy;
    if (array == ControlName::lblCom) labels_[index] = labels_.at(0);
  }
  std::string LabelText(ComponentIndex index) override {
    Log("text", ControlName::lblCom, index);
    return labels_.at(index);
  }
  void SetLabelText(ComponentIndex index, std::string_view text) override {
    Log("settext", ControlName::lblCom, index);
    labels_.at(index) = std::string(text);
  }
  void ProcessPendingEvents() override {
    Record("pump");
    ++pumps;
  }
  void PaintNow() noexcept override { Record("paint"); }
  std::string ButtonCaption() override { return buttonCaption; }
  void SetButtonCaption(std::string_view caption) override {
    Record("caption " + std::string(caption));
    buttonCaption = std::string(caption);
  }
  void SetWindowCaption(std::string_view caption) override {
    Record("window " + std::string(caption));
    if (failWindowCaption) throw Error(1400, "SetWindowText");  // ERROR_INVALID_WINDOW_HANDLE
    windowCaption = std::string(caption);
  }
  void SetAboutCaption(std::string_view caption) override {
    Record("about " + std::string(caption));
    aboutCaption = std::string(caption);
  }

  Element& At(ControlName array, ComponentIndex index) {
    const auto found = elements_.find({array, index});
    if (found == elements_.end()) throw Error(error_code::kInvalidArgument, "no such element");
    return found->second;
  }
  bool Exists(ControlName array, ComponentIndex index) const {
    return elements_.contains({array, index});
  }
  std::string Label(ComponentIndex index) const { return labels_.at(index); }
  void PresetLabel(ComponentIndex index, std::string text) { labels_[index] = std::move(text); }
  // The pictures of row `index` that are visible.
  std::vector<ControlName> VisiblePictures(ComponentIndex index) {
    std::vector<ControlName> shown;
    for (const ControlName picture : kRowPictures) {
      if (At(picture, index).visible) shown.push_back(picture);
    }
    return shown;
  }

  std::vector<std::string> ops;
  std::vector<std::string>* timeline = nullptr;
  int pumps = 0;
  bool failWindowCaption = false;
  std::string buttonCaption = "Command1";
  std::string windowCaption = "Form1";
  std::string aboutCaption = "Label1";

 private:
  void Log(std::string_view what, ControlName array, ComponentIndex index) {
    Record(std::string(what) + " " + std::string(DesignOf(array).label) + "(" +
           std::to_string(index) + ")");
  }
  void Record(std::string op) {
    if (timeline != nullptr) timeline->push_back(op);
    ops.push_back(std::move(op));
  }

  std::map<std::pair<ControlName, ComponentIndex>, Element> elements_;
  std::map<ComponentIndex, std::string> labels_;
};

}  // namespace brantel::testing
