# Writes IN to OUT with every line ended by CR LF, as the table readers need.
# The committed tables use plain LF so that they diff and review well.
file(READ "${IN}" text)
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE "${OUT}" "${text}")
