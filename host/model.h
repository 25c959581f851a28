// Registry of the host's state, so that undo marks can snapshot and restore
// the whole model and tests can reset the whole host.
//
// Model components (the object store first) take part in snapshots; services
// (journal, log, frames, memory counts, environment ...) only in resets.
// Components and services register themselves from any file, without
// editing this one. A component whose state is one value copied whole is
// written with model_state:
//
//     namespace {
//     struct Layers {
//         std::map<int, std::string> names;
//     };
//     Layers& layers() { return host::model_state<Layers>("layers"); }
//     const bool registered = (layers(), true);  // take part from the start
//     }
//
// host::TagTable<T> is a ready component: rows keyed by tag, snapshotted by
// copy, rows of objects that die are dropped. A component that needs more
// (counters that must not go back on a restore, say) derives from
// ModelComponent itself and registers with register_model_component.
#ifndef HOST_MODEL_H
#define HOST_MODEL_H

#include <cstring>
#include <memory>
#include <unordered_map>
#include <vector>

namespace host {

class ModelComponent {
public:
    virtual ~ModelComponent() = default;
    virtual const char* name() const = 0;
    virtual std::shared_ptr<const void> snapshot() const = 0;
    virtual void restore(const void* snapshot) = 0;
    virtual void reset() = 0;
};

// The component must live as long as the process (a static object).
void register_model_component(ModelComponent* component);
// fn runs on every host::reset_all, in order of registration.
void register_service_reset(const char* name, void (*fn)());

struct ModelSnapshot {
    std::vector<std::shared_ptr<const void>> parts;  // one per component, in registration order
};
ModelSnapshot snapshot_model();
// Restores every component; one registered after the snapshot is reset.
void restore_model(const ModelSnapshot& snapshot);
void reset_model();
// Resets every model component and every service.
void reset_all();

// A component holding one value: a snapshot is a copy, a restore copies it
// back, a reset makes it State{}.
template <class State>
class ModelValue : public ModelComponent {
public:
    explicit ModelValue(const char* name) : name_(name) {}
    const char* name() const override { return name_; }
    std::shared_ptr<const void> snapshot() const override { return std::make_shared<State>(value); }
    void restore(const void* s) override { value = *static_cast<const State*>(s); }
    void reset() override { value = State{}; }
    State value{};

private:
    const char* name_;
};

// The value of the component of type State, registered under `name` on the
// first call (the name of later calls is not looked at). Each State type is
// one component; it lives as long as the process.
template <class State>
State& model_state(const char* name) {
    static ModelValue<State>* const component = [name] {
        auto* made = new ModelValue<State>(name);
        register_model_component(made);
        return made;
    }();
    return component->value;
}

// Internal: adds a destroy listener for TagTable (see host/services/objects.h).
int tag_table_listen(void (*drop)(void* table, unsigned int tag), void* table);

template <class T>
class TagTable : public ModelComponent {
public:
    explicit TagTable(const char* name) : name_(name) {
        register_model_component(this);
        tag_table_listen([](void* t, unsigned int tag) { static_cast<TagTable*>(t)->rows_.erase(tag); }, this);
        tables().push_back(this);
    }
    // The table of rows of T made under `name`, or null. The part-file
    // section that saves a component's rows finds its table this way.
    static TagTable* named(const char* name) {
        for (TagTable* t : tables())
            if (std::strcmp(t->name_, name) == 0) return t;
        return nullptr;
    }
    const char* name() const override { return name_; }
    std::shared_ptr<const void> snapshot() const override { return std::make_shared<Map>(rows_); }
    void restore(const void* s) override { rows_ = *static_cast<const Map*>(s); }
    void reset() override { rows_.clear(); }

    T* find(unsigned int tag) {
        auto it = rows_.find(tag);
        return it == rows_.end() ? nullptr : &it->second;
    }
    T& operator[](unsigned int tag) { return rows_[tag]; }
    void erase(unsigned int tag) { rows_.erase(tag); }
    std::size_t size() const { return rows_.size(); }

private:
    static std::vector<TagTable*>& tables() {
        static std::vector<TagTable*> list;
        return list;
    }
    using Map = std::unordered_map<unsigned int, T>;
    const char* name_;
    Map rows_;
};

}  // namespace host

#endif
