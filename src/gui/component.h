#pragma once
#include <functional>
#include <string>
#include <vector>

class TObject {
public:
    virtual ~TObject() = default;
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

enum TOperation { opInsert, opRemove };

// A component is destroyed by its owner, which destroys what it owns in reverse order of
// creation. References between components are plain pointers; a component that keeps one asks
// for free-notification and clears it in Notification(opRemove).
class TComponent : public TObject {
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;

    TComponent* Owner() const { return FOwner; }
    const std::string& Name() const { return FName; }
    void SetName(const std::string& v) { FName = v; }
    long long Tag() const { return FTag; }
    void SetTag(long long v) { FTag = v; }
    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int i) const { return FComponents.at(static_cast<std::size_t>(i)); }
    // Destroying starts: derived destructors can test it to skip work for a dying owner.
    bool Destroying() const { return FDestroying; }

    // Called by the owner (or by Free) just before the component is deleted, while the most
    // derived object is still whole; forms fire OnDestroy here.
    virtual void BeforeDestruction() {}

    void FreeNotification(TComponent* AComponent);
    void RemoveFreeNotification(TComponent* AComponent);

protected:
    virtual void Notification(TComponent* AComponent, TOperation Operation);
    // Derived destructors call this first, so owned components go while the owner is whole.
    void DestroyComponents();

private:
    void InsertComponent(TComponent* c);
    void RemoveComponent(TComponent* c);

    TComponent* FOwner;
    std::string FName;
    long long FTag = 0;
    bool FDestroying = false;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
};

// Deletes a component the way its owner would: BeforeDestruction first, then the destructor.
inline void Free(TComponent* c)
{
    if (c) {
        c->BeforeDestruction();
        delete c;
    }
}
