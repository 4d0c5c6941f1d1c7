#pragma once
// A minimal component: an owner, a name, notification of a referenced
// component's destruction, and named properties that can be saved and loaded
// (the stand-in for stored forms).
#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace quellmark {

using TPropertyMap = std::map<std::string, std::string>;

class TComponent {
public:
    explicit TComponent(TComponent* owner = nullptr) : owner_(owner) {}
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;
    virtual ~TComponent() {
        // Tell every component that asked that this one is going away.
        auto watchers = std::move(watchers_);
        for (TComponent* watcher : watchers) {
            watcher->Forget(this);
            watcher->Notification(this);
        }
        for (TComponent* watched : watching_) watched->Forget(this);
    }

    TComponent* Owner() const { return owner_; }
    std::string Name;

    // Asks `other` to call Notification on this component when it is destroyed.
    void FreeNotification(TComponent* other) {
        if (!other || other == this) return;
        if (std::find(other->watchers_.begin(), other->watchers_.end(), this) == other->watchers_.end())
            other->watchers_.push_back(this);
        if (std::find(watching_.begin(), watching_.end(), other) == watching_.end()) watching_.push_back(other);
    }

    virtual void WriteProperties(TPropertyMap&) const {}
    virtual void ReadProperties(const TPropertyMap&) {}

protected:
    // `removed` is being destroyed: drop any reference to it.
    virtual void Notification(TComponent* removed) { (void)removed; }

private:
    void Forget(TComponent* other) {
        std::erase(watchers_, other);
        std::erase(watching_, other);
    }

    TComponent* owner_;
    std::vector<TComponent*> watchers_;  // told when this one is destroyed
    std::vector<TComponent*> watching_;  // those this one asked to be told about
};

}  // namespace quellmark
