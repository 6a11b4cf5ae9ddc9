#include "Usage.h"

#include "Version.h"

std::string HelpText()
{
    return R"(Usage: beamctl [--projector A.B.C.D] [--password TEXT] [--timeout MS] [--json]
               COMMAND [ARG...]

Controls the projector that Beamdesk controls, from a script or a shell. Each
run opens a session (TCP port 3629) exactly as the Beamdesk console does, sends
the console's commands, and ends once the projector's prompt has answered them.

Commands:
  status                print power, A/V mute, freeze and caption channel as
                        the projector reports them, e.g. power=01, mute=OFF,
                        freeze=OFF, cc=00 (power: 01 standby, 02 warming up,
                        03 on, 04 cooling down)
  power on|off          switch the projector on or off (no question is asked)
  mute on|off|toggle    A/V mute; toggle asks the projector for its state and
                        sends the opposite, as the console's button does
  freeze on|off|toggle  freeze the picture; toggle as for mute
  source NAME|CODE      computer1, computer2, computer, quillan, video,
                        s-video, or a two-character code as the projector
                        takes it (F2)
  volume up|down [N]    N volume steps, each answered before the next
                        (default 1, at most 100)
  cc CHANNEL            caption channel by its name in Beamdesk.ini's [VALUE]
                        list (OFF, CC1, CC2 unless that file says otherwise);
                        any other CHANNEL is sent as the value itself (cc 13)
  probe                 print reachable=yes|no and password=required|none
  send TEXT             send TEXT as one command (beamctl adds the CR) and
                        print each reply line; quote TEXT when it has spaces

Options:
  --projector A.B.C.D   the projector's IPv4 address
  --password TEXT       the projector's password (at most 16 characters)
  --timeout MS          how long to wait for each reply, in ms (default 10000)
  --json                status, probe and send print one JSON object instead
  -h, --help            print this help
  --version             print beamctl's version
  --                    every word after it belongs to the command

Environment:
  BEAMDESK_PROJECTOR    the address when there is no --projector
  BEAMDESK_PASSWORD     the password when there is no --password

On Windows, with neither --projector nor BEAMDESK_PROJECTOR, beamctl takes the
address saved by the Beamdesk console, and with it the saved password unless
--password or BEAMDESK_PASSWORD gives one. The caption channel names come from
the Beamdesk.ini beside beamctl.exe. Elsewhere nothing is saved, and the names
are the built-in OFF=00, CC1=11, CC2=12.

Output: name=value lines, control characters shown as \xNN; with --json one
object with the same names, and null for a value the projector did not give.

Exit status:
  0  done: the projector's prompt answered every command
  2  usage error (bad option, command, address or password): nothing was sent
  3  no projector answered: the connection was refused or not made within
     2000 ms, no reply to the handshake, the session was refused, the
     connection closed, or no reply within the time-out
  4  password problem: refused, or the projector wants one and none was given
     (or wants none and one was given)
  5  the projector answered ERR, or its reply named no state (status, toggle)
Every failure prints one line on standard error saying what failed.
)";
}

std::string VersionText()
{
    return std::string("beamctl (") + BEAMDESK_PRODUCT_NAME + ") " + BEAMDESK_VERSION_STRING + "\n";
}
