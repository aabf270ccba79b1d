#pragma once

#include "AURenderEvent.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

class AUParameterTree;

enum class AudioUnitParameterUnit : std::uint32_t {
    generic = 0,
    hertz = 8,
};

// One parameter of a unit, reached through its tree: setting a value tells the tree's
// value observer, reading one asks its value provider. Control threads only.
class AUParameter {
public:
    AUParameter(QString identifier, QString name, AUParameterAddress address, float min, float max,
                AudioUnitParameterUnit unit);
    static std::unique_ptr<AUParameter> parameter(const QString& identifier, const QString& name,
                                                  AUParameterAddress address, float min, float max,
                                                  AudioUnitParameterUnit unit);

    const QString& identifier() const { return identifier_; }
    const QString& displayName() const { return displayName_; }
    AUParameterAddress address() const { return address_; }
    float minValue() const { return minValue_; }
    float maxValue() const { return maxValue_; }
    AudioUnitParameterUnit unit() const { return unit_; }

    float value() const;
    void setValue(float value);
    // The value (the parameter's own when none is given) as the tree writes it.
    QString stringFromValue(const float* value = nullptr) const;

private:
    friend class AUParameterTree;
    QString identifier_;
    QString displayName_;
    AUParameterAddress address_;
    float minValue_;
    float maxValue_;
    AudioUnitParameterUnit unit_;
    const AUParameterTree* tree_ = nullptr;
};

// A unit's parameters, with the unit's callbacks for setting and reading their values.
class AUParameterTree {
public:
    using ValueObserver = std::function<void(AUParameter& parameter, float value)>;
    using ValueProvider = std::function<float(const AUParameter& parameter)>;

    // A tree of these parameters whose values read as "%.3f".
    static std::unique_ptr<AUParameterTree> tree(std::vector<std::unique_ptr<AUParameter>> children);

    const std::vector<std::unique_ptr<AUParameter>>& children() const { return children_; }
    AUParameter* parameterWithAddress(AUParameterAddress address) const;

    const ValueObserver& implementorValueObserver() const { return observer_; }
    void setImplementorValueObserver(ValueObserver observer) { observer_ = std::move(observer); }
    const ValueProvider& implementorValueProvider() const { return provider_; }
    void setImplementorValueProvider(ValueProvider provider) { provider_ = std::move(provider); }

private:
    explicit AUParameterTree(std::vector<std::unique_ptr<AUParameter>> children);

    std::vector<std::unique_ptr<AUParameter>> children_;
    ValueObserver observer_;
    ValueProvider provider_;
};
