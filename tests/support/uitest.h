#pragma once

#include "testui.h"

namespace KvoTest {

// A widget test class whose every test (each data row) runs once per configured engine, with the
// library's widgets support installed.
class UiTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase_data() { addEngineRows(); }
    void initTestCase() { KvoPlx800SCtl::installWidgetsSupport(); }
};

} // namespace KvoTest
