#include "components/component.h"

#include <algorithm>

#include "rtl/exceptions.h"
#include "rtl/text.h"

namespace zelmor {

namespace {

bool IsIdentStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsValidIdent(const std::string& name) {
  if (name.empty() || !IsIdentStart(name[0])) return false;
  return std::all_of(name.begin() + 1, name.end(),
                     [](char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); });
}

}  // namespace

TComponent::TComponent(TComponent* owner) : owner_(owner) {
  if (owner_) owner_->components_.push_back(this);
}

TComponent::~TComponent() {
  DestroyComponents();
  if (owner_) owner_->Remove(this);
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* newest = components_.back();
    // The child's destructor removes it from this list.
    delete newest;
  }
}

void TComponent::Remove(TComponent* component) {
  const auto it = std::find(components_.begin(), components_.end(), component);
  if (it != components_.end()) components_.erase(it);
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  if (name.empty()) return nullptr;
  for (TComponent* component : components_) {
    if (AnsiSameText(component->name_, name)) return component;
  }
  return nullptr;
}

void TComponent::SetName(const std::string& name) {
  if (name == name_) return;
  if (!name.empty() && !IsValidIdent(name)) {
    throw EComponentError("\"" + name + "\" is not a valid component name");
  }
  if (owner_) {
    TComponent* other = owner_->FindComponent(name);
    if (other && other != this) {
      throw EComponentError("A component named " + name + " already exists");
    }
  }
  name_ = name;
}

}  // namespace zelmor
