#include "AUParameterTree.h"

AUParameter::AUParameter(QString identifier, QString name, AUParameterAddress address, float min, float max,
                         AudioUnitParameterUnit unit)
    : identifier_(std::move(identifier)), displayName_(std::move(name)), address_(address), minValue_(min),
      maxValue_(max), unit_(unit)
{
}

std::unique_ptr<AUParameter> AUParameter::parameter(const QString& identifier, const QString& name,
                                                    AUParameterAddress address, float min, float max,
                                                    AudioUnitParameterUnit unit)
{
    return std::make_unique<AUParameter>(identifier, name, address, min, max, unit);
}

float AUParameter::value() const
{
    return tree_ && tree_->implementorValueProvider() ? tree_->implementorValueProvider()(*this) : 0.0f;
}

void AUParameter::setValue(float value)
{
    if (tree_ && tree_->implementorValueObserver())
        tree_->implementorValueObserver()(*this, value);
}

QString AUParameter::stringFromValue(const float* value) const
{
    return QString::asprintf("%.3f", double(value ? *value : this->value()));
}

AUParameterTree::AUParameterTree(std::vector<std::unique_ptr<AUParameter>> children) : children_(std::move(children))
{
    for (auto& child : children_)
        child->tree_ = this;
}

std::unique_ptr<AUParameterTree> AUParameterTree::tree(std::vector<std::unique_ptr<AUParameter>> children)
{
    return std::unique_ptr<AUParameterTree>(new AUParameterTree(std::move(children)));
}

AUParameter* AUParameterTree::parameterWithAddress(AUParameterAddress address) const
{
    for (const auto& child : children_)
        if (child->address() == address)
            return child.get();
    return nullptr;
}
