#pragma once

struct Panel;

void ChannelItem_Click(Panel &p, int idx);
void ElAllOn_Click(Panel &p);
void ElAllOff_Click(Panel &p);
