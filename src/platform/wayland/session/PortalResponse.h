// The receiving end of a portal request's Response signal.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QVariantMap>
#include <vector>

class TPortalResponse : public QObject {
    Q_OBJECT
public:
    ~TPortalResponse() override;
    // Subscribes to the Response of the request at Path, from any sender:
    // the path holds this connection's own name and a fresh token.
    void Listen(QDBusConnection bus, const QString& path);
    bool Done() const { return FDone; }
    uint Code() const { return FCode; }
    const QVariantMap& Results() const { return FResults; }

signals:
    void Received();

private slots:
    void Response(uint code, const QVariantMap& results);

private:
    struct TSubscription {
        QDBusConnection Bus;
        QString Path;
    };
    std::vector<TSubscription> Subscriptions;
    bool FDone = false;
    uint FCode = 2;
    QVariantMap FResults;
};
