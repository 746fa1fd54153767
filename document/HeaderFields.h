#pragma once

#include <QString>

namespace vemla {

// The header fields of a report, as the operator typed them.
struct HeaderFields {
    QString company;
    QString model;
    QString serialNumber;
    QString testOperator;
    QString notes;
};

} // namespace vemla
