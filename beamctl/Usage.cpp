#include "Usage.h"

#include "Version.h"

std::string HelpText()
{
    return R"(Usage: beamctl [OPTION]... COMMAND [ARG]...
       beamctl [--json] discover [RANGE]...

Controls the projector that Beamdesk controls, or many projectors at once,
from a script or a shell. Each run opens a session exactly as the Beamdesk
console does (TCP port 3629 in the native protocol, port 4352 in PJLink),
sends the console's commands, and ends once the projector has answered them
(the native prompt, PJLink's reply line).

Commands:
  status                print power, A/V mute, freeze and caption channel as
                        the projector reports them, e.g. power=01, mute=OFF,
                        freeze=OFF, cc=00 (power: 01 standby, 02 warming up,
                        03 on, 04 cooling down). PJLink: power=0..3 (0 standby,
                        1 on, 2 cooling down, 3 warming up), mute=30|31|11|21
                        (none, both, video, audio muted), input=CODE and, from
                        a class-2 projector, freeze=0|1
  info                  PJLink only: name, manufacturer, product, class,
                        lamp_hours (one number per lamp), errors (fan, lamp,
                        temperature, cover, filter, other: each ok, warning or
                        error) and inputs (the input codes); an item the
                        projector does not answer is left out
  status info           both, on one session (PJLink)
  power on|off          switch the projector on or off (no question is asked)
  mute on|off|toggle    A/V mute; toggle asks the projector for its state and
                        sends the opposite, as the console's button does
  freeze on|off|toggle  freeze the picture; toggle as for mute (PJLink:
                        class 2)
  source NAME|CODE      computer1, computer2, computer, quillan, video,
                        s-video, or a two-character code as the projector
                        takes it (F2). PJLink: the names select the inputs of
                        the console's buttons (11, 12, 11, 51, 21, 22 unless
                        Beamdesk.ini's [PJLINK] says otherwise); a code is the
                        input type 1-6 and a number 1-9 or A-Z (31; type 6 and
                        the letters need class 2)
  volume up|down [N]    N volume steps, each answered before the next
                        (default 1, at most 100; PJLink: class 2)
  cc CHANNEL            caption channel by its name in Beamdesk.ini's [VALUE]
                        list (OFF, CC1, CC2 unless that file says otherwise);
                        any other CHANNEL is sent as the value itself (cc 13).
                        Not in PJLink, which has no captions
  probe                 print reachable=yes and password=required|none, or
                        reachable=refused (the projector answered and opens
                        no session) or reachable=no (no answer); the native
                        protocol only
  send TEXT             send TEXT as one command (beamctl adds the CR) and,
                        once the projector confirmed it, print each reply
                        line (a failed command's lines are on its failure's
                        line); quote TEXT when it has spaces. PJLink: a whole
                        command line, e.g. "%1POWR ?"
  discover [RANGE...]   search for projectors and print one line for each
                        found: its address, then "native" and/or "pjlink",
                        each with password=required|none (pjlink: unknown
                        when only the search answered), and for PJLink
                        class=1|2, mac= (from the search) and name=TEXT (the
                        rest of the line) when known. RANGE is A.B.C.D/N (N
                        from 22 to 32) or A.B.C.D-A.B.C.E (at most 1024
                        addresses); without one, the /24 around each address
                        of the interfaces that are up (not the loopback).
                        Every address is tried on port 3629 (the console's
                        probe, no session) and on 4352 (the PJLink greeting,
                        NAME and CLSS when there is no password) at once,
                        2000 ms per connection; the PJLink search goes to
                        each range's broadcast address. A /24 takes at most
                        3 s. --json prints an array of objects with address
                        and, per protocol, "native"/"pjlink": {password, and
                        name, class, mac when known}. The other options do
                        not apply

Options:
  --projector LIST      the projector's IPv4 address (A.B.C.D), several
                        separated by commas, or @FILE: a file of one address
                        a line, each optionally followed by its protocol
                        (native or pjlink), with # comments and blank lines
  --protocol P          native (the default) or pjlink
  --password TEXT       the projector's password (native: at most 16
                        characters; PJLink: at most 32 ASCII letters and
                        digits)
  --timeout MS          how long to wait for each reply, in ms (default 10000)
  --json                status, info, probe and send print one JSON object
                        (discover: an array)
  --prometheus          status and info print Prometheus metrics (text
                        exposition format): projector_up, projector_power_state
                        (0 standby, 1 on, 2 cooling down, 3 warming up),
                        projector_av_mute, projector_freeze,
                        projector_input_info, projector_caption_info,
                        projector_info, projector_lamp_hours{lamp="N"} and
                        projector_error{kind="..."} (0 ok, 1 warning, 2 error),
                        each labelled with address and protocol; a projector
                        that did not answer has projector_up 0 and no other
                        sample
  -h, --help            print this help
  --version             print beamctl's version
  --                    every word after it belongs to the command

Each option may be given once. A value that starts with "-" is given as
--name=VALUE (--password=-x).

Environment:
  BEAMDESK_PROJECTOR    the address (or list, or @FILE) when there is no
                        --projector
  BEAMDESK_PROTOCOL     the protocol when there is no --protocol
  BEAMDESK_PASSWORD     the password when there is no --password

An empty variable counts as unset.

On Windows, with neither --projector nor BEAMDESK_PROJECTOR, beamctl takes the
address saved by the Beamdesk console, and with it the saved password (the
PJLink password under PJLink) unless --password or BEAMDESK_PASSWORD gives one.
With neither --protocol nor BEAMDESK_PROTOCOL it speaks the protocol the
console is set to. The caption channel names and the PJLink input codes come
from the Beamdesk.ini beside beamctl.exe. Elsewhere nothing is saved, and the
names are the built-in OFF=00, CC1=11, CC2=12 and the inputs the defaults.

Output: name=value lines, with control characters (C0 and C1) and the
backslash shown as \xNN; with --json one object with the same names, and null
for a value the projector did not give (info: lamp_hours and inputs are
arrays, errors an object).

Many projectors (more than one): each is talked to on its own session, at most 64 at once,
in its own protocol (its line's, else --protocol's or BEAMDESK_PROTOCOL's)
with the password of --password or BEAMDESK_PASSWORD (a saved password never
goes to a listed projector). Every output line starts with the projector's
address ("192.168.1.20: power=01"), --json prints one object keyed by address
(each projector's object, or {"error": TEXT, "exit": STATUS}), and each failure
is one line on standard error after the address. A bad address, line or
password anywhere in the list is a usage error: nothing is sent.

Exit status:
  0  done: the projector answered every command (discover: one was found)
  1  done, but the output could not be written (a full disk, a closed pipe)
  2  usage error (bad option, command, address, code or password): nothing
     was sent
  3  no projector answered: the connection was refused or not made within
     2000 ms, no reply to the handshake (PJLink: no greeting within 2000 ms),
     the session was refused, the connection closed, or no reply within the
     time-out (discover: none was found)
  4  password problem: refused (PJLink: ERRA), or the projector wants one and
     none was given (or wants none and one was given)
  5  the projector answered ERR (PJLink: ERR1 unsupported command, ERR2 out of
     parameter, ERR3 unavailable time, ERR4 projector failure), or its reply
     named no state (status, toggle), or a class-1 PJLink projector was given
     a class-2 command (it is not sent)
  6  many projectors: at least one of them failed (each with its own line on
     standard error); 0 only when every one confirmed
Every failure prints one line on standard error saying what failed (a usage
error: what is wrong, and a hint in brackets).
)";
}

std::string VersionText()
{
    return std::string("beamctl (") + BEAMDESK_PRODUCT_NAME + ") " + BEAMDESK_VERSION_STRING + "\n";
}
