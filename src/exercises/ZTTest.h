#pragma once

#include "ZTNoteCollection.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>

// One question of an exercise, built from one catalogue item (an ExerciseItem).
// Construction only stores the item; init() is the second phase that applies it through
// the overridable setItem(), so always make questions with create<T>() (or the class
// registry), never with a bare constructor.
class ZTTest {
public:
    explicit ZTTest(const QVariantMap& item = {});
    virtual ~ZTTest();
    ZTTest(const ZTTest&) = delete;
    ZTTest& operator=(const ZTTest&) = delete;

    // A new question of kind T from the item (an empty map for none), fully initialised.
    template <typename T>
    static std::unique_ptr<T> create(const QVariantMap& item = {})
    {
        auto question = std::make_unique<T>(item);
        question->init();
        return question;
    }

    // Second phase: answerable by note input, then setItem() with the item given at
    // construction. Subclasses call the base first, then set their own fields.
    virtual void init();

    // Registry name of the class, as the catalogue's "class" gives it.
    virtual QString className() const;

    const QVariantMap& item() const { return item_; }
    // Stores the item and copies its "definition", "name" and "translatedName".
    virtual void setItem(const QVariantMap& item);

    QVariant definition() const { return definition_; }
    void setDefinition(const QVariant& definition) { definition_ = definition; }
    QString name() const { return name_; }
    void setName(const QString& name) { name_ = name; }
    QString translatedName() const { return translatedName_; }
    void setTranslatedName(const QString& name) { translatedName_ = name; }
    // The question as the sidebar names it: the translated name (already in the user's
    // language and note naming), else the localized item name.
    QString shownName() const;
    // Extra chosen by the controller: the inversion number of a chord question.
    QVariant userInfo() const { return userInfo_; }
    void setUserInfo(const QVariant& userInfo) { userInfo_ = userInfo; }
    bool hasAudio() const { return hasAudio_; }
    void setHasAudio(bool hasAudio) { hasAudio_ = hasAudio; }
    bool canBeAnsweredByNoteInput() const { return canBeAnsweredByNoteInput_; }
    void setCanBeAnsweredByNoteInput(bool can) { canBeAnsweredByNoteInput_ = can; }

    // The question's notes, one collection per step; none for questions without notes.
    virtual QList<ZTNoteCollection> noteCollectionObjects() const;
    // The answer as text; empty here.
    virtual QString result() const;
    // Whether another question asks the same; never here.
    virtual bool isEqualTo(const ZTTest& other) const;
    virtual QString description() const;

private:
    QVariantMap item_;
    QVariant definition_;
    QString name_;
    QString translatedName_;
    QVariant userInfo_;
    bool hasAudio_ = false;
    bool canBeAnsweredByNoteInput_ = true;
};
