#include "nmrasapi.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "nmsignals.h"

namespace {

const QString Service = "org.freedesktop.NetworkManager";
const QString ManagerPath = "/org/freedesktop/NetworkManager";
const QString ManagerIface = Service;
const QString SettingsPath = ManagerPath + "/Settings";
const QString SettingsIface = Service + ".Settings";
const QString ProfileIface = SettingsIface + ".Connection";
const QString ActiveIface = Service + ".Connection.Active";
const QString PropertiesIface = "org.freedesktop.DBus.Properties";
const QString DefaultSystemBus = "unix:path=/var/run/dbus/system_bus_socket";

// NetworkManager answers at once; a call that takes longer has failed.
constexpr int CallTimeoutMs = 5000;
// NMState: connected with global (internet) connectivity.
constexpr uint ConnectedGlobal = 70;
// NMActiveConnectionState.
enum : uint { AcActivating = 1, AcActivated = 2, AcDeactivating = 3, AcDeactivated = 4 };
// NMActivationStateFlags: the link is up, IP configuration runs.
constexpr uint Layer2Ready = 0x8;
// An error code ErrorString has no text for.
constexpr TRasError NoText = 87;

// NMActiveConnectionStateReason, by value.
constexpr std::array<const char*, 15> ReasonTexts{
    "The connection failed for an unknown reason.",
    "The connection failed.",
    "The connection was disconnected by the user.",
    "The device of the connection was disconnected.",
    "The VPN service was stopped.",
    "The IP configuration of the connection was invalid.",
    "The connection attempt timed out.",
    "The VPN service did not start in time.",
    "The VPN service failed to start.",
    "The secrets of the connection were not provided.",
    "Authentication to the server failed.",
    "The connection was deleted from the settings.",
    "The connection this one depends on failed to activate.",
    "The software device of the connection could not be created.",
    "The device of the connection disappeared.",
};

// The profile kinds a user dials: mobile broadband, PPPoE, VPN, Bluetooth DUN.
bool IsDialUp(const QMap<QString, QVariantMap>& Settings) {
  const QString Type = Settings.value("connection").value("type").toString();
  if (Type == "bluetooth") return Settings.value("bluetooth").value("type").toString() == "dun";
  return Type == "gsm" || Type == "cdma" || Type == "pppoe" || Type == "vpn";
}

QVariant PathArg(const QString& Path) { return QVariant::fromValue(QDBusObjectPath(Path)); }

QString PathOf(const QVariant& Value) { return Value.value<QDBusObjectPath>().path(); }

class TNetworkManagerRas : public TRasApi {
public:
  TNetworkManagerRas(const QDBusConnection& Bus, QString Name) : FBus(Bus), FName(std::move(Name)) {
    FSignals.OnStateChanged = [this](const QString& Path, uint State, uint Reason) {
      ActiveStateChanged(Path, State, Reason);
    };
    FSignals.OnPropertiesChanged = [this](const QString& Path, const QString& Interface, const QVariantMap& Changed) {
      PropertiesChanged(Path, Interface, Changed);
    };
    ConnectProperties(ManagerPath);
  }

  ~TNetworkManagerRas() override {
    // After the application is gone, Qt's D-Bus connections are gone with it.
    if (!QCoreApplication::instance()) return;
    while (!FDials.empty()) Unfollow(FDials.back().Handle);
    FBus.disconnect(Service, ManagerPath, PropertiesIface, "PropertiesChanged", &FSignals,
                    SLOT(PropertiesChanged(QString, QVariantMap, QStringList, QDBusMessage)));
    QDBusConnection::disconnectFromBus(FName);
  }

  bool Available() const override { return true; }

  TRasError EnumEntries(std::vector<std::string>& Names) override {
    Names.clear();
    std::vector<TProfile> List;
    const TRasError Error = Profiles(List);
    for (const TProfile& Profile : List) Names.push_back(Profile.Id);
    return Error;
  }

  // The active connections of dial-up profiles; while NetworkManager is
  // connected globally also the others (without an entry name), as they may
  // carry the IP traffic.
  TRasError EnumConnections(std::vector<TRasConnection>& Connections) override {
    Connections.clear();
    std::vector<TProfile> List;
    QVariantMap Manager;
    if (const TRasError Error = Profiles(List)) return Error;
    if (const TRasError Error = Properties(ManagerPath, ManagerIface, Manager)) return Error;
    const bool Online = Manager.value("State").toUInt() == ConnectedGlobal;
    for (const QDBusObjectPath& Path : qdbus_cast<QList<QDBusObjectPath>>(Manager.value("ActiveConnections"))) {
      QVariantMap Active;
      // One that went away meanwhile is passed over.
      if (Properties(Path.path(), ActiveIface, Active) != 0) continue;
      const QString Profile = PathOf(Active.value("Connection"));
      const auto Entry = std::find_if(List.begin(), List.end(), [&](const TProfile& P) { return P.Path == Profile; });
      if (Entry == List.end() && !Online) continue;
      Connections.push_back({HandleOf(Path.path()), Entry == List.end() ? std::string() : Entry->Id,
                             Active.value("Type").toString().toStdString(), {}});
    }
    return 0;
  }

  // A connection carries IP when it is activated while NetworkManager is
  // connected globally; its address is the first one NetworkManager reports.
  TRasError GetProjectionIp(TRasConn Connection, std::string& IpAddress) override {
    IpAddress.clear();
    const auto It = FPaths.find(Connection);
    if (It == FPaths.end()) return 0;
    QVariantMap Manager, Active;
    if (const TRasError Error = Properties(ManagerPath, ManagerIface, Manager)) return Error;
    if (Manager.value("State").toUInt() != ConnectedGlobal) return 0;
    if (Properties(It->second, ActiveIface, Active) != 0 || Active.value("State").toUInt() != AcActivated) return 0;
    for (const auto& [Property, Interface] : {std::pair{"Ip4Config", ".IP4Config"}, std::pair{"Ip6Config", ".IP6Config"}}) {
      const QString ConfigPath = PathOf(Active.value(Property));
      QVariantMap Config;
      if (ConfigPath.isEmpty() || ConfigPath == "/" || Properties(ConfigPath, Service + Interface, Config) != 0) continue;
      for (const QVariantMap& Address : qdbus_cast<QList<QVariantMap>>(Config.value("AddressData"))) {
        IpAddress = Address.value("address").toString().toStdString();
        if (!IpAddress.empty()) return 0;
      }
    }
    return 0;
  }

  // NetworkManager keeps the secrets of its profiles and asks its secret
  // agents for them, so an entry counts as having its password stored.
  TRasError GetEntryDialParams(TRasDialParams& Params, bool& HasPassword) override {
    HasPassword = false;
    std::vector<TProfile> List;
    if (const TRasError Error = Profiles(List)) return Error;
    if (!FindProfile(List, Params.EntryName)) return nmras::NoSuchEntry;
    HasPassword = true;
    return 0;
  }

  // Nothing to store: the profile's secrets stay NetworkManager's.
  TRasError SetEntryDialParams(const TRasDialParams&, bool) override { return 0; }

  TRasError Dial(const TRasDialParams& Params, TRasDialEvent Notify, TRasConn& Connection) override {
    Connection = FNextHandle++;
    std::vector<TProfile> List;
    if (const TRasError Error = Profiles(List)) return Error;
    const TProfile* Profile = FindProfile(List, Params.EntryName);
    if (!Profile) return nmras::NoSuchEntry;
    QVariantList Reply;
    if (const TRasError Error = Call(ManagerPath, ManagerIface, "ActivateConnection",
                                     {PathArg(Profile->Path), PathArg("/"), PathArg("/")}, &Reply))
      return Error;
    const QString Path = PathOf(Reply.value(0));
    FPaths[Connection] = Path;
    FDials.push_back({Connection, Path, std::move(Notify)});
    FBus.connect(Service, Path, ActiveIface, "StateChanged", &FSignals, SLOT(StateChanged(uint, uint, QDBusMessage)));
    ConnectProperties(Path);
    Report(FDials.back(), rascs::OpenPort);
    // The state it reached before the signals were followed.
    QVariantMap Active;
    if (Properties(Path, ActiveIface, Active) != 0) {
      Fail(Connection, 0);
    } else {
      FDials.back().State = Active.value("State").toUInt();
      FDials.back().Flags = Active.value("StateFlags").toUInt();
      Observe(FDials.back());
    }
    return 0;
  }

  void Poll() override {
    // The signals that arrived for this service only: the caller's other
    // events wait for its own event loop.
    QCoreApplication::sendPostedEvents(&FSignals, QEvent::MetaCall);
    while (!FEvents.empty()) {
      TEvent Event = std::move(FEvents.front());
      FEvents.pop_front();
      Event.Notify(Event.State, Event.Error);
    }
  }

  // Deactivates only a connection activated here; others are left up.
  TRasError HangUp(TRasConn Connection) override {
    const TDial* Dial = FindDial(Connection);
    if (!Dial) return 0;
    const QString Path = Dial->Path;
    Unfollow(Connection);
    return Call(ManagerPath, ManagerIface, "DeactivateConnection", {PathArg(Path)});
  }

  TRasError ErrorString(TRasError Code, std::string& Text) override {
    Text.clear();
    if (Code == nmras::CallFailed) Text = "NetworkManager: " + FCallError;
    else if (Code == nmras::NoSuchEntry) Text = "NetworkManager has no dial-up connection of that name.";
    else if (Code >= nmras::ReasonBase && Code - nmras::ReasonBase < ReasonTexts.size())
      Text = ReasonTexts[Code - nmras::ReasonBase];
    else return NoText;
    return 0;
  }

  // NetworkManager has no status texts of its own: the built-in ones are used.
  std::string StatusString(int) override { return {}; }

private:
  struct TProfile {
    QString Path;
    std::string Id;
  };
  // A dial made here, followed until it is hung up or fails.
  struct TDial {
    TRasConn Handle;
    QString Path;
    TRasDialEvent Notify;
    uint State = 0;
    uint Flags = 0;
    int Reported = -1;  // the last dial state reported
  };
  struct TEvent {
    TRasConn Handle;
    TRasDialEvent Notify;
    int State;
    TRasError Error;
  };

  TRasError Call(const QString& Path, const QString& Interface, const QString& Method, const QVariantList& Args,
                 QVariantList* Results = nullptr) {
    QDBusMessage Message = QDBusMessage::createMethodCall(Service, Path, Interface, Method);
    Message.setArguments(Args);
    const QDBusMessage Reply = FBus.call(Message, QDBus::Block, CallTimeoutMs);
    if (Reply.type() != QDBusMessage::ReplyMessage) {
      FCallError = (Reply.errorMessage().isEmpty() ? Reply.errorName() : Reply.errorMessage()).toStdString();
      return nmras::CallFailed;
    }
    if (Results) *Results = Reply.arguments();
    return 0;
  }

  TRasError Properties(const QString& Path, const QString& Interface, QVariantMap& Values) {
    QVariantList Reply;
    if (const TRasError Error = Call(Path, PropertiesIface, "GetAll", {Interface}, &Reply)) return Error;
    Values = qdbus_cast<QVariantMap>(Reply.value(0));
    return 0;
  }

  // The dial-up profiles, in NetworkManager's order.
  TRasError Profiles(std::vector<TProfile>& List) {
    List.clear();
    QVariantList Reply;
    if (const TRasError Error = Call(SettingsPath, SettingsIface, "ListConnections", {}, &Reply)) return Error;
    for (const QDBusObjectPath& Path : qdbus_cast<QList<QDBusObjectPath>>(Reply.value(0))) {
      QVariantList Settings;
      // A profile removed meanwhile is passed over.
      if (Call(Path.path(), ProfileIface, "GetSettings", {}, &Settings) != 0) continue;
      const auto Map = qdbus_cast<QMap<QString, QVariantMap>>(Settings.value(0));
      if (IsDialUp(Map)) List.push_back({Path.path(), Map.value("connection").value("id").toString().toStdString()});
    }
    return 0;
  }

  static const TProfile* FindProfile(const std::vector<TProfile>& List, const std::string& Id) {
    const auto It = std::find_if(List.begin(), List.end(), [&](const TProfile& P) { return P.Id == Id; });
    return It == List.end() ? nullptr : &*It;
  }

  TRasConn HandleOf(const QString& Path) {
    for (const auto& [Handle, Known] : FPaths)
      if (Known == Path) return Handle;
    FPaths[FNextHandle] = Path;
    return FNextHandle++;
  }

  TDial* FindDial(TRasConn Handle) {
    const auto It = std::find_if(FDials.begin(), FDials.end(), [&](const TDial& D) { return D.Handle == Handle; });
    return It == FDials.end() ? nullptr : &*It;
  }

  TDial* DialAt(const QString& Path) {
    const auto It = std::find_if(FDials.begin(), FDials.end(), [&](const TDial& D) { return D.Path == Path; });
    return It == FDials.end() ? nullptr : &*It;
  }

  void ConnectProperties(const QString& Path) {
    FBus.connect(Service, Path, PropertiesIface, "PropertiesChanged", &FSignals,
                 SLOT(PropertiesChanged(QString, QVariantMap, QStringList, QDBusMessage)));
  }

  // Stops following a dial and drops its undelivered events.
  void Unfollow(TRasConn Handle) {
    const TDial* Dial = FindDial(Handle);
    if (!Dial) return;
    FBus.disconnect(Service, Dial->Path, ActiveIface, "StateChanged", &FSignals,
                    SLOT(StateChanged(uint, uint, QDBusMessage)));
    FBus.disconnect(Service, Dial->Path, PropertiesIface, "PropertiesChanged", &FSignals,
                    SLOT(PropertiesChanged(QString, QVariantMap, QStringList, QDBusMessage)));
    std::erase_if(FDials, [&](const TDial& D) { return D.Handle == Handle; });
    std::erase_if(FEvents, [&](const TEvent& E) { return E.Handle == Handle; });
  }

  // Queues State unless the dial has reported it or a later one.
  void Report(TDial& Dial, int State) {
    if (State <= Dial.Reported) return;
    Dial.Reported = State;
    FEvents.push_back({Dial.Handle, Dial.Notify, State, 0});
  }

  void Observe(TDial& Dial) {
    if (Dial.State == AcActivated) {
      Report(Dial, rascs::Connected);
    } else if (Dial.State == AcActivating) {
      Report(Dial, rascs::ConnectDevice);
      if (Dial.Flags & Layer2Ready) Report(Dial, rascs::LogonNetwork);
    }
  }

  // The dial ended: its last state with the error of Reason, and it is no longer followed.
  void Fail(TRasConn Handle, uint Reason) {
    const TDial* Dial = FindDial(Handle);
    if (!Dial) return;
    TEvent Event{Handle, Dial->Notify, std::max(Dial->Reported, 0), nmras::ReasonBase + Reason};
    Unfollow(Handle);
    FEvents.push_back(std::move(Event));
  }

  void ActiveStateChanged(const QString& Path, uint State, uint Reason) {
    TDial* Dial = DialAt(Path);
    if (!Dial) return;
    if (State == AcDeactivating || State == AcDeactivated) return Fail(Dial->Handle, Reason);
    Dial->State = State;
    Observe(*Dial);
  }

  void PropertiesChanged(const QString& Path, const QString& Interface, const QVariantMap& Changed) {
    if (Path == ManagerPath && Changed.contains("ActiveConnections")) return ActiveConnectionsChanged();
    TDial* Dial = DialAt(Path);
    if (!Dial || Interface != ActiveIface) return;
    // Deactivation is taken from StateChanged, which carries the reason.
    if (Changed.contains("State") && Changed.value("State").toUInt() <= AcActivated)
      Dial->State = Changed.value("State").toUInt();
    if (Changed.contains("StateFlags")) Dial->Flags = Changed.value("StateFlags").toUInt();
    Observe(*Dial);
  }

  // A followed connection that no longer exists went down without saying why.
  void ActiveConnectionsChanged() {
    std::vector<TRasConn> Gone;
    for (const TDial& Dial : FDials) {
      QVariantMap Active;
      if (Properties(Dial.Path, ActiveIface, Active) != 0) Gone.push_back(Dial.Handle);
    }
    for (const TRasConn Handle : Gone) Fail(Handle, 0);
  }

  QDBusConnection FBus;
  QString FName;
  TNmSignals FSignals;
  // Handles given out for active connections, with their object paths.
  std::map<TRasConn, QString> FPaths;
  std::vector<TDial> FDials;
  std::deque<TEvent> FEvents;
  TRasConn FNextHandle = 1;
  std::string FCallError;
};

}  // namespace

std::shared_ptr<TRasApi> NetworkManagerRasApi() {
  // Qt's D-Bus module needs an application object for its connections.
  if (!QCoreApplication::instance()) return NoRasApi();
  const char* Address = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
  static int Connections = 0;
  const QString Name = QString("corvalen-ras-%1").arg(++Connections);
  const QDBusConnection Bus =
      QDBusConnection::connectToBus(Address && *Address ? QString(Address) : DefaultSystemBus, Name);
  if (!Bus.isConnected() || !Bus.interface()->isServiceRegistered(Service).value()) {
    QDBusConnection::disconnectFromBus(Name);
    return NoRasApi();
  }
  return std::make_shared<TNetworkManagerRas>(Bus, Name);
}
