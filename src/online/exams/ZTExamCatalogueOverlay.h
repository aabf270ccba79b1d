#pragma once

#include "ZTDataProvider.h"

#include <QVariantList>

// While an exam runs, the shared catalogue reads its custom exercises from the exam's
// entries (which hold no items of their own) instead of from the settings store; the
// source it had before comes back when the overlay goes. The settings store is never
// touched, so the user's custom exercises survive anything that happens meanwhile.
class ZTExamCatalogueOverlay {
public:
    explicit ZTExamCatalogueOverlay(const QVariantList& entries);
    ~ZTExamCatalogueOverlay();
    ZTExamCatalogueOverlay(const ZTExamCatalogueOverlay&) = delete;
    ZTExamCatalogueOverlay& operator=(const ZTExamCatalogueOverlay&) = delete;

private:
    ZTDataProvider::CustomListSource previous_;
};
