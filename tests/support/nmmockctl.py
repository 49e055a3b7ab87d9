#!/usr/bin/python3
"""Drives python-dbusmock's NetworkManager template on the bus named by
DBUS_SYSTEM_BUS_ADDRESS: one command per run, its result on standard output.

  wait                   until NetworkManager's name has an owner (10 s)
  profile ID TYPE [BT]   adds a connection profile; prints its path
  state N                sets NetworkManager's global state
  stepwise               activations start in ACTIVATING, with StateFlags 0
  active PROFILE         activates PROFILE as another program; prints the path
  flags N                StateFlags of the newest active connection
  acstate STATE REASON   the newest active connection changes state (StateChanged)
  ip ADDRESS             gives the newest active connection an IPv4 address
  newest                 prints the path of the newest active connection
  calls METHOD           the first argument of every call of a manager method
"""
import sys
import time

import dbus

NM = 'org.freedesktop.NetworkManager'
MANAGER = '/org/freedesktop/NetworkManager'
ACTIVE = NM + '.Connection.Active'
MOCK = 'org.freedesktop.DBus.Mock'

bus = dbus.SystemBus()


def mock(path=MANAGER):
    return dbus.Interface(bus.get_object(NM, path), MOCK)


def newest():
    props = dbus.Interface(bus.get_object(NM, MANAGER), dbus.PROPERTIES_IFACE)
    return str(props.Get(NM, 'ActiveConnections')[-1])


def main(command, *args):
    if command == 'wait':
        deadline = time.monotonic() + 10
        while not bus.name_has_owner(NM):
            if time.monotonic() > deadline:
                sys.exit('NetworkManager mock did not start')
            time.sleep(0.05)
    elif command == 'profile':
        settings = {'connection': {'id': args[0], 'type': args[1]}}
        if len(args) > 2:
            settings['bluetooth'] = {'type': args[2]}
        store = dbus.Interface(bus.get_object(NM, MANAGER + '/Settings'), NM + '.Settings')
        print(store.AddConnection(settings))
    elif command == 'state':
        mock().SetGlobalConnectionState(dbus.UInt32(int(args[0])))
    elif command == 'stepwise':
        mock().AddMethod(NM, 'ActivateConnection', 'ooo', 'o',
                         "ret = self.AddActiveConnection([], args[0], '/', 'dial%d' % len(self.call_log), 1)\n"
                         f"objects[ret].AddProperty('{ACTIVE}', 'StateFlags', dbus.UInt32(0))")
    elif command == 'active':
        print(mock().AddActiveConnection(dbus.Array([], signature='s'), args[0], '/', 'other%d' % time.monotonic_ns(), dbus.UInt32(2)))
    elif command == 'flags':
        mock().SetProperty(newest(), ACTIVE, 'StateFlags', dbus.UInt32(int(args[0]), variant_level=1))
    elif command == 'acstate':
        path = newest()
        mock().SetProperty(path, ACTIVE, 'State', dbus.UInt32(int(args[0]), variant_level=1))
        mock(path).EmitSignal(ACTIVE, 'StateChanged', 'uu', [dbus.UInt32(int(args[0])), dbus.UInt32(int(args[1]))])
    elif command == 'ip':
        path = newest()
        config = MANAGER + '/IP4Config/' + path.rsplit('/', 1)[1]
        addresses = dbus.Array([dbus.Dictionary({'address': args[0], 'prefix': dbus.UInt32(24)}, signature='sv')],
                               signature='a{sv}')
        mock().AddObject(config, NM + '.IP4Config', {'AddressData': addresses}, [])
        mock(path).AddProperty(ACTIVE, 'Ip4Config', dbus.ObjectPath(config))
    elif command == 'newest':
        print(newest())
    elif command == 'calls':
        for _, call_args in mock().GetMethodCalls(args[0]):
            print(call_args[0])
    else:
        sys.exit('unknown command ' + command)


main(*sys.argv[1:])
